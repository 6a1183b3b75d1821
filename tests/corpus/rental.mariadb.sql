-- Film rentals: films in languages, actors in films, stores run by one of their staff, copies of
-- films in stores, rentals of copies by customers. InnoDB keeps no foreign keys on partitioned
-- tables, so the rentals are one table here.
create table languages (
  id smallint unsigned not null auto_increment primary key,
  name char(20) not null
) engine = InnoDB default charset = utf8mb4;
create table films (
  id smallint unsigned not null auto_increment primary key,
  title varchar(100) not null,
  description text,
  release_year year,
  language_id smallint unsigned not null,
  original_language_id smallint unsigned,
  rental_rate decimal(4, 2) not null check (rental_rate >= 0.99 and rental_rate <= 9.99),
  length smallint unsigned check (length > 0),
  rating enum('G', 'PG', 'PG-13', 'R', 'NC-17') default 'G',
  special_features set('Trailers', 'Commentaries', 'Deleted Scenes', 'Behind the Scenes'),
  foreign key (language_id) references languages (id),
  foreign key (original_language_id) references languages (id)
) engine = InnoDB default charset = utf8mb4;
create table actors (
  id smallint unsigned not null auto_increment primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null
) engine = InnoDB default charset = utf8mb4;
create table film_actor (
  actor_id smallint unsigned not null,
  film_id smallint unsigned not null,
  primary key (actor_id, film_id),
  foreign key (actor_id) references actors (id),
  foreign key (film_id) references films (id)
) engine = InnoDB default charset = utf8mb4;
create table stores (
  id smallint unsigned not null auto_increment primary key,
  manager_staff_id smallint unsigned not null unique,
  city varchar(50) not null,
  location point not null,
  spatial index (location)
) engine = InnoDB default charset = utf8mb4;
create table staff (
  id smallint unsigned not null auto_increment primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  store_id smallint unsigned not null,
  username varchar(16) not null unique,
  active boolean not null,
  foreign key (store_id) references stores (id)
) engine = InnoDB default charset = utf8mb4;
alter table stores add foreign key (manager_staff_id) references staff (id);
create table rental_customers (
  id smallint unsigned not null auto_increment primary key,
  store_id smallint unsigned not null,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  email varchar(50),
  foreign key (store_id) references stores (id)
) engine = InnoDB default charset = utf8mb4;
create table inventory (
  id mediumint unsigned not null auto_increment primary key,
  film_id smallint unsigned not null,
  store_id smallint unsigned not null,
  foreign key (film_id) references films (id),
  foreign key (store_id) references stores (id)
) engine = InnoDB default charset = utf8mb4;
create table rentals (
  id int not null auto_increment primary key,
  rental_date datetime not null,
  inventory_id mediumint unsigned not null,
  customer_id smallint unsigned not null,
  staff_id smallint unsigned not null,
  return_date datetime,
  foreign key (inventory_id) references inventory (id),
  foreign key (customer_id) references rental_customers (id),
  foreign key (staff_id) references staff (id)
) engine = InnoDB default charset = utf8mb4;
