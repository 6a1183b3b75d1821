-- A web shop: customers who refer customers, addresses, products, orders and their lines, reviews.
create table customers (
  id int unsigned not null auto_increment primary key,
  first_name varchar(40) not null,
  last_name varchar(40) not null,
  email varchar(100) not null unique,
  phone varchar(20),
  referred_by int unsigned,
  created_at datetime not null,
  foreign key (referred_by) references customers (id)
) engine = InnoDB default charset = utf8mb4;
create table addresses (
  id int unsigned not null auto_increment primary key,
  customer_id int unsigned not null,
  street varchar(80) not null,
  city varchar(50) not null,
  postal_code varchar(10),
  country_code char(2) not null,
  foreign key (customer_id) references customers (id)
) engine = InnoDB default charset = utf8mb4;
create table products (
  id int unsigned not null auto_increment primary key,
  sku char(8) not null unique check (sku like '___-____'),
  name varchar(60) not null,
  description text,
  price decimal(10, 2) not null check (price > 0),
  stock smallint unsigned not null
) engine = InnoDB default charset = utf8mb4;
create table orders (
  id int unsigned not null auto_increment primary key,
  customer_id int unsigned not null,
  shipping_address_id int unsigned,
  status enum('new', 'paid', 'sent', 'returned') not null,
  ordered_at date not null,
  foreign key (customer_id) references customers (id),
  foreign key (shipping_address_id) references addresses (id)
) engine = InnoDB default charset = utf8mb4;
create table order_lines (
  order_id int unsigned not null,
  line_no smallint unsigned not null,
  product_id int unsigned not null,
  qty tinyint unsigned not null check (qty between 1 and 99),
  primary key (order_id, line_no),
  foreign key (order_id) references orders (id),
  foreign key (product_id) references products (id)
) engine = InnoDB default charset = utf8mb4;
create table reviews (
  id int unsigned not null auto_increment primary key,
  product_id int unsigned not null,
  customer_id int unsigned not null,
  rating tinyint not null check (rating >= 1 and rating <= 5),
  title varchar(60),
  unique (product_id, customer_id),
  foreign key (product_id) references products (id),
  foreign key (customer_id) references customers (id)
) engine = InnoDB default charset = utf8mb4;
